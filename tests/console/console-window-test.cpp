// The console window's one line on stderr when the job starts waiting for
// the site, where no live progress line can count down.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "app/console/console-window.h"

namespace {

std::string contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        text += static_cast<char>(c);
    return text;
}

TEST(ConsoleWindowTest, ACountdownWithoutAProgressLineGetsOneLineEachTime)
{
    for (bool const lines : {true, false}) {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        ASSERT_NE(out, nullptr);
        ASSERT_NE(err, nullptr);
        {
            app::console::ConsoleWindow window(out, err, false, lines);
            window.setText("标签_动态", "3/1");
            window.setText("标签_动态", "网站限制访问，3秒后自动继续");
            window.setText("标签_动态", "网站限制访问，2秒后自动继续");
            window.setText("标签_动态", "网站限制访问，1秒后自动继续");
            window.setText("标签_动态", "3/1");
            window.setText("标签_动态", "网站限制访问，6秒后自动继续");
        }
        EXPECT_EQ(contents(err), lines ? "tervala-cli: 网站限制访问，3秒后自动继续\n"
                                         "tervala-cli: 网站限制访问，6秒后自动继续\n"
                                       : "");
        EXPECT_EQ(contents(out), "");
        std::fclose(out);
        std::fclose(err);
    }
}

TEST(ConsoleWindowTest, TheLiveLineShowsTheCountdownWhilePhotosComeIn)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ASSERT_NE(err, nullptr);
    {
        app::console::ConsoleWindow window(out, err, true);
        window.setText("标签_动态", "温馨提示：相册列表获取完毕");
        window.setText("标签_正在下载相册", "下载到第[1]个相册");
        window.setText("标签_动态", "网站限制访问，2秒后自动继续");
        window.setText("标签_动态", "温馨提示：相册列表获取完毕");
    }
    std::string const lines = contents(err);
    EXPECT_NE(lines.find("\r\033[K网站限制访问，2秒后自动继续  下载到第[1]个相册\r"), std::string::npos) << lines;
    // Otherwise the old status stays off the line while downloading.
    EXPECT_EQ(lines.find("温馨提示：相册列表获取完毕  下载到第"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("tervala-cli:"), std::string::npos);
    std::fclose(out);
    std::fclose(err);
}

}  // namespace
