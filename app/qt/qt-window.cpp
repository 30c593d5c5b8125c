#include "app/qt/qt-window.h"

#include <algorithm>
#include <condition_variable>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>

#include "app/qt/album-list-view.h"

namespace app::qt {

namespace {

char const* const AlbumListName = "超级列表框1";
char const* const LogName = "编辑框_操作记录";
char const* const BoxCaption = "信息：";
// The progress bar keeps what was written; it shows the position held
// at the maximum.
char const* const PositionProperty = "tervalaPosition";
char const* const MaximumProperty = "tervalaMaximum";

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The log box shows line feeds; the entries carry "\r\n".
QString ForDisplay(std::string const& text)
{
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

void ShowProgress(QProgressBar* bar)
{
    int const maximum = bar->property(MaximumProperty).toInt();
    int const position = bar->property(PositionProperty).toInt();
    bar->setRange(0, std::max(maximum, 1));
    bar->setValue(std::clamp(position, 0, std::max(maximum, 0)));
}

}  // namespace

struct QtWindow::WorkerBox {
    std::mutex mutex;
    std::condition_variable closed;
    bool done = false;
    QPointer<QMessageBox> dialog;  // window thread only

    void finish()
    {
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        closed.notify_all();
    }
};

QtWindow::QtWindow(QWidget* root) : m_root(root), m_thread(root->thread()) {}

QWidget* QtWindow::find(QString const& name)
{
    if (!m_root) return nullptr;
    if (auto known = m_controls.constFind(name); known != m_controls.constEnd() && *known) return *known;
    auto* widget = m_root->objectName() == name ? m_root.data() : m_root->findChild<QWidget*>(name);
    if (widget) m_controls.insert(name, widget);
    return widget;
}

AlbumListView* QtWindow::albumList()
{
    return qobject_cast<AlbumListView*>(find(QString::fromUtf8(AlbumListName)));
}

std::string QtWindow::text(std::string_view control)
{
    return onWindowThread([this, name = FromUtf8(control)]() -> std::string {
        QWidget* widget = find(name);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
        if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().toStdString();
        if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
            return box->toPlainText().replace(QStringLiteral("\n"), QStringLiteral("\r\n")).toStdString();
        }
        if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title().toStdString();
        if (auto* spin = qobject_cast<QSpinBox*>(widget)) return QString::number(spin->value()).toStdString();
        return {};
    });
}

void QtWindow::setText(std::string_view control, std::string const& text)
{
    onWindowThread([this, name = FromUtf8(control), value = QString::fromStdString(text)] {
        QWidget* widget = find(name);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->setText(value);
            edit->setCursorPosition(0);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(value);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(value);
        } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
            box->setPlainText(QString(value).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            group->setTitle(value);
        } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
            // As for check boxes: writing does not raise the change handler.
            QSignalBlocker const quiet(spin);
            spin->setValue(value.toInt());
        }
    });
}

bool QtWindow::isChecked(std::string_view control)
{
    return onWindowThread([this, control = std::string(control)] {
        auto* button = find<QAbstractButton>(control);
        return button && button->isChecked();
    });
}

void QtWindow::setChecked(std::string_view control, bool checked)
{
    onWindowThread([this, control = std::string(control), checked] {
        auto* button = find<QAbstractButton>(control);
        if (!button) return;
        // A radio button is unticked by ticking its partner; allow it here
        // so the program can write either state as the contract says.
        bool const exclusive = button->autoExclusive();
        if (!checked) button->setAutoExclusive(false);
        button->setChecked(checked);
        button->setAutoExclusive(exclusive);
    });
}

void QtWindow::setVisible(std::string_view control, bool visible)
{
    onWindowThread([this, control = std::string(control), visible] {
        if (QWidget* widget = find(FromUtf8(control))) widget->setVisible(visible);
    });
}

void QtWindow::setEnabled(std::string_view control, bool enabled)
{
    onWindowThread([this, control = std::string(control), enabled] {
        if (QWidget* widget = find(FromUtf8(control))) widget->setEnabled(enabled);
    });
}

int QtWindow::progressPosition(std::string_view control)
{
    return onWindowThread([this, control = std::string(control)] {
        auto* bar = find<QProgressBar>(control);
        return bar ? bar->property(PositionProperty).toInt() : 0;
    });
}

int QtWindow::progressMaximum(std::string_view control)
{
    return onWindowThread([this, control = std::string(control)] {
        auto* bar = find<QProgressBar>(control);
        return bar ? bar->property(MaximumProperty).toInt() : 0;
    });
}

void QtWindow::setProgressPosition(std::string_view control, int position)
{
    onWindowThread([this, control = std::string(control), position] {
        if (auto* bar = find<QProgressBar>(control)) {
            bar->setProperty(PositionProperty, position);
            ShowProgress(bar);
        }
    });
}

void QtWindow::setProgressMaximum(std::string_view control, int maximum)
{
    onWindowThread([this, control = std::string(control), maximum] {
        if (auto* bar = find<QProgressBar>(control)) {
            bar->setProperty(MaximumProperty, maximum);
            ShowProgress(bar);
        }
    });
}

void QtWindow::appendLog(std::string const& entry)
{
    onWindowThread([this, value = ForDisplay(entry)] {
        auto* box = find<QPlainTextEdit>(LogName);
        if (!box) return;
        QTextCursor cursor(box->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(value);
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
    });
}

void QtWindow::clearRows()
{
    onWindowThread([this] {
        if (auto* list = albumList()) list->clearRows();
    });
}

int QtWindow::appendRow()
{
    return onWindowThread([this] {
        auto* list = albumList();
        return list ? list->appendRow() : -1;
    });
}

int QtWindow::rowCount()
{
    return onWindowThread([this] {
        auto* list = albumList();
        return list ? list->rowCount() : 0;
    });
}

std::string QtWindow::cellText(int row, int column)
{
    return onWindowThread([this, row, column] {
        auto* list = albumList();
        return list ? list->cellText(row, column).toStdString() : std::string();
    });
}

void QtWindow::setCellText(int row, int column, std::string const& text)
{
    onWindowThread([this, row, column, value = QString::fromStdString(text)] {
        if (auto* list = albumList()) list->setCellText(row, column, value);
    });
}

void QtWindow::setCellImage(int row, int column, int imageIndex)
{
    onWindowThread([this, row, column, imageIndex] {
        if (auto* list = albumList()) list->setCellImage(row, column, imageIndex);
    });
}

int QtWindow::rowCheckState(int row)
{
    return onWindowThread([this, row] {
        auto* list = albumList();
        return list ? list->rowCheckState(row) : 0;
    });
}

void QtWindow::setRowCheckState(int row, int state)
{
    onWindowThread([this, row, state] {
        if (auto* list = albumList()) list->setRowCheckState(row, state);
    });
}

void QtWindow::setColumnWidth(int column, int width)
{
    onWindowThread([this, column, width] {
        if (auto* list = albumList()) list->setDesignColumnWidth(column, width);
    });
}

void QtWindow::selectRow(int row)
{
    onWindowThread([this, row] {
        if (auto* list = albumList()) list->selectRow(row);
    });
}

int QtWindow::addCoverImage(net::Bytes const& picture)
{
    // Decoding is the window's work too: the image list belongs to it.
    return onWindowThread([this, &picture] {
        auto* list = albumList();
        return list ? list->addCoverImage(picture) : -1;
    });
}

net::DateTime QtWindow::dateTime(std::string_view control)
{
    return onWindowThread([this, control = std::string(control)] {
        net::DateTime when;
        if (auto* picker = find<QDateTimeEdit>(control)) {
            QDateTime const value = picker->dateTime();
            when = {value.date().year(), value.date().month(), value.date().day(),
                    value.time().hour(), value.time().minute(), value.time().second()};
        }
        return when;
    });
}

void QtWindow::messageBox(std::string const& text)
{
    QString const value = QString::fromStdString(text);
    if (QThread::currentThread() == m_thread) {
        if (m_closing.load()) return;
        QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(BoxCaption), value, QMessageBox::Ok, m_root);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
        return;
    }
    auto box = std::make_shared<WorkerBox>();
    {
        std::lock_guard lock(m_boxesMutex);
        m_boxes.push_back(box);
    }
    onWindowThread([this, box, value] { showWorkerBox(box, value); });
    {
        std::unique_lock lock(box->mutex);
        // Closing finishes every box, so this wait always ends.
        box->closed.wait(lock, [&] { return box->done || m_closing.load(); });
    }
    std::lock_guard lock(m_boxesMutex);
    std::erase(m_boxes, box);
}

void QtWindow::showWorkerBox(std::shared_ptr<WorkerBox> const& box, QString const& text)
{
    auto* dialog = new QMessageBox(QMessageBox::NoIcon, QString::fromUtf8(BoxCaption), text, QMessageBox::Ok, m_root);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    box->dialog = dialog;
    QObject::connect(dialog, &QDialog::finished, dialog, [box] { box->finish(); });
    QObject::connect(dialog, &QObject::destroyed, [box] { box->finish(); });
    dialog->show();
}

void QtWindow::processEvents()
{
    if (QThread::currentThread() == m_thread) {
        QCoreApplication::processEvents();
        return;
    }
    // The round trip itself lets the window handle what was queued before it.
    onWindowThread([] {});
}

void QtWindow::beginClosing()
{
    m_closing.store(true);
    std::vector<std::shared_ptr<WorkerBox>> boxes;
    {
        std::lock_guard lock(m_boxesMutex);
        boxes = m_boxes;
    }
    for (auto const& box : boxes) {
        if (box->dialog) box->dialog->close();
        box->finish();
    }
}

}  // namespace app::qt
