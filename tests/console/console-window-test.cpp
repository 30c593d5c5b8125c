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
            window.setText("标签_第多少张照片", "3/1");
            window.setText("标签_第多少张照片", "网站限制访问，3秒后自动继续");
            window.setText("标签_第多少张照片", "网站限制访问，2秒后自动继续");
            window.setText("标签_第多少张照片", "网站限制访问，1秒后自动继续");
            window.setText("标签_第多少张照片", "3/1");
            window.setText("标签_第多少张照片", "网站限制访问，6秒后自动继续");
        }
        EXPECT_EQ(contents(err), lines ? "tervala-cli: 网站限制访问，3秒后自动继续\n"
                                         "tervala-cli: 网站限制访问，6秒后自动继续\n"
                                       : "");
        EXPECT_EQ(contents(out), "");
        std::fclose(out);
        std::fclose(err);
    }
}

}  // namespace
