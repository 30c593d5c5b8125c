#pragma once

#include <functional>
#include <vector>

#include <QIcon>
#include <QTreeWidget>

#include "net/text.h"

namespace app::qt {

// The album list 超级列表框1: a report view with a check box in column 0 and
// the eight columns of an album row. Check states set by the program do not
// raise the row-check handler; a click or the space bar does.
class AlbumListView : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 8;
    static constexpr int CoverSize = 100;

    explicit AlbumListView(QWidget* parent = nullptr);

    // Called with (row, state) after the user changed a row's check box.
    void onRowCheck(std::function<void(int, int)> handler);

    void clearRows();
    int appendRow();
    [[nodiscard]] int rowCount() const;
    [[nodiscard]] QString cellText(int row, int column) const;
    void setCellText(int row, int column, QString const& text);
    void setCellImage(int row, int column, int imageIndex);
    [[nodiscard]] int rowCheckState(int row) const;
    void setRowCheckState(int row, int state);
    // Width 0 hides the column; the width written is what reads back.
    void setDesignColumnWidth(int column, int width);
    [[nodiscard]] int designColumnWidth(int column) const;
    void selectRow(int row);
    // Decodes the picture (the default cover when it cannot be decoded),
    // scales it to 100 x 100 and returns its index in the item images.
    int addCoverImage(net::Bytes const& picture);
    [[nodiscard]] int coverImageCount() const { return static_cast<int>(m_covers.size()); }

private:
    void itemStateChanged(QTreeWidgetItem* item, int column);

    std::vector<QIcon> m_covers;
    std::vector<int> m_columnWidths;
    std::function<void(int, int)> m_rowCheckHandler;
    bool m_settingState = false;
};

}  // namespace app::qt
