#pragma once

#include <QPoint>
#include <QWidget>

namespace app::qt {

// Every control keeps its design place and size (as in the window design,
// relative to its design container); the toolkit geometry follows from it.
// A tab page's controls are placed relative to the tab control, so a page
// records where it starts inside the tab control (its origin).

void SetDesignGeometry(QWidget* widget, int left, int top, int width, int height);
void SetDesignLeft(QWidget* widget, int left);
void SetDesignWidth(QWidget* widget, int width);
[[nodiscard]] int DesignLeft(QWidget const* widget);
[[nodiscard]] int DesignWidth(QWidget const* widget);

// Marks `page` as a container whose design places count from `origin`
// (the page's top-left inside the tab control) and re-places its children.
void SetDesignOrigin(QWidget* page, QPoint origin);

// Applies the design values to the widget: a negative width shows as 0.
void ApplyDesignGeometry(QWidget* widget);

}  // namespace app::qt
