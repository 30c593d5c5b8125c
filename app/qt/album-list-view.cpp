#include "app/qt/album-list-view.h"

#include <array>

#include <QHeaderView>
#include <QImage>
#include <QPixmap>

namespace app::qt {

namespace {

struct ColumnDesign {
    char const* caption;
    int width;
};

constexpr std::array<ColumnDesign, AlbumListView::ColumnCount> Columns{{
    {"选择", 60},
    {"序号", 40},
    {"相册名称", 120},
    {"封面", 100},
    {"图片数量", 70},
    {"相册ID", 80},
    {"相册问题", 80},
    {"相册密码", 80},
}};

// The check state last set, so a change of another role (text, icon) is
// not mistaken for a click on the box.
constexpr int KnownStateRole = Qt::UserRole + 1;

QIcon DefaultCover()
{
    return QIcon(QPixmap::fromImage(QImage(":/tervala/default-cover.jpg")
                                        .scaled(AlbumListView::CoverSize, AlbumListView::CoverSize,
                                                Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace

AlbumListView::AlbumListView(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(ColumnCount);
    QStringList captions;
    for (auto const& column : Columns) captions << QString::fromUtf8(column.caption);
    setHeaderLabels(captions);
    header()->setMinimumSectionSize(0);
    header()->setStretchLastSection(false);
    for (int i = 0; i < ColumnCount; ++i) setDesignColumnWidth(i, Columns[static_cast<size_t>(i)].width);
    setRootIsDecorated(false);
    setUniformRowHeights(false);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(CoverSize, CoverSize));
    setSortingEnabled(false);
    connect(this, &QTreeWidget::itemChanged, this, &AlbumListView::itemStateChanged);
}

void AlbumListView::onRowCheck(std::function<void(int, int)> handler)
{
    m_rowCheckHandler = std::move(handler);
}

void AlbumListView::clearRows()
{
    clear();
}

int AlbumListView::appendRow()
{
    auto* item = new QTreeWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    m_settingState = true;
    item->setCheckState(0, Qt::Unchecked);
    item->setData(0, KnownStateRole, 0);
    addTopLevelItem(item);
    m_settingState = false;
    return indexOfTopLevelItem(item);
}

int AlbumListView::rowCount() const
{
    return topLevelItemCount();
}

QString AlbumListView::cellText(int row, int column) const
{
    QTreeWidgetItem const* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

void AlbumListView::setCellText(int row, int column, QString const& text)
{
    if (QTreeWidgetItem* item = topLevelItem(row); item && column >= 0 && column < ColumnCount) {
        item->setText(column, text);
    }
}

void AlbumListView::setCellImage(int row, int column, int imageIndex)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= ColumnCount) return;
    bool const known = imageIndex >= 0 && imageIndex < coverImageCount();
    item->setIcon(column, known ? m_covers[static_cast<size_t>(imageIndex)] : QIcon());
}

int AlbumListView::rowCheckState(int row) const
{
    QTreeWidgetItem const* item = topLevelItem(row);
    if (!item) return 0;
    QVariant const state = item->data(0, Qt::CheckStateRole);
    if (!state.isValid()) return -1;
    return state.toInt() == Qt::Checked ? 1 : 0;
}

void AlbumListView::setRowCheckState(int row, int state)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item) return;
    m_settingState = true;
    if (state == 0 || state == 1) {
        item->setCheckState(0, state == 1 ? Qt::Checked : Qt::Unchecked);
    } else {
        item->setData(0, Qt::CheckStateRole, QVariant());  // no check box
    }
    item->setData(0, KnownStateRole, state);
    m_settingState = false;
}

void AlbumListView::setDesignColumnWidth(int column, int width)
{
    if (column < 0 || column >= ColumnCount) return;
    if (m_columnWidths.size() < ColumnCount) m_columnWidths.resize(ColumnCount, 0);
    m_columnWidths[static_cast<size_t>(column)] = width;
    setColumnHidden(column, width <= 0);
    if (width > 0) setColumnWidth(column, width);
}

int AlbumListView::designColumnWidth(int column) const
{
    if (column < 0 || column >= static_cast<int>(m_columnWidths.size())) return 0;
    return m_columnWidths[static_cast<size_t>(column)];
}

void AlbumListView::selectRow(int row)
{
    if (QTreeWidgetItem* item = topLevelItem(row)) {
        setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

int AlbumListView::addCoverImage(net::Bytes const& picture)
{
    QImage image;
    image.loadFromData(reinterpret_cast<uchar const*>(picture.data()), static_cast<int>(picture.size()));
    if (image.isNull()) {
        m_covers.push_back(DefaultCover());
    } else {
        m_covers.push_back(QIcon(QPixmap::fromImage(
            image.scaled(CoverSize, CoverSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))));
    }
    return coverImageCount() - 1;
}

void AlbumListView::itemStateChanged(QTreeWidgetItem* item, int column)
{
    if (m_settingState || column != 0 || !item) return;
    QVariant const state = item->data(0, Qt::CheckStateRole);
    if (!state.isValid()) return;
    int const now = state.toInt() == Qt::Checked ? 1 : 0;
    if (item->data(0, KnownStateRole).toInt() == now) return;
    item->setData(0, KnownStateRole, now);
    if (m_rowCheckHandler) m_rowCheckHandler(indexOfTopLevelItem(item), now);
}

}  // namespace app::qt
