#include "app/qt/design-geometry.h"

#include <algorithm>

namespace app::qt {

namespace {
char const* const LeftProperty = "designLeft";
char const* const TopProperty = "designTop";
char const* const WidthProperty = "designWidth";
char const* const HeightProperty = "designHeight";
char const* const OriginProperty = "designOrigin";
}  // namespace

void SetDesignGeometry(QWidget* widget, int left, int top, int width, int height)
{
    widget->setProperty(LeftProperty, left);
    widget->setProperty(TopProperty, top);
    widget->setProperty(WidthProperty, width);
    widget->setProperty(HeightProperty, height);
    ApplyDesignGeometry(widget);
}

void SetDesignLeft(QWidget* widget, int left)
{
    widget->setProperty(LeftProperty, left);
    ApplyDesignGeometry(widget);
}

void SetDesignWidth(QWidget* widget, int width)
{
    widget->setProperty(WidthProperty, width);
    ApplyDesignGeometry(widget);
}

int DesignLeft(QWidget const* widget)
{
    return widget->property(LeftProperty).toInt();
}

int DesignWidth(QWidget const* widget)
{
    return widget->property(WidthProperty).toInt();
}

void SetDesignOrigin(QWidget* page, QPoint origin)
{
    if (page->property(OriginProperty).toPoint() == origin && page->property(OriginProperty).isValid()) return;
    page->setProperty(OriginProperty, origin);
    for (QObject* child : page->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child)) ApplyDesignGeometry(widget);
    }
}

void ApplyDesignGeometry(QWidget* widget)
{
    if (!widget->property(LeftProperty).isValid()) return;
    QPoint origin;
    if (QWidget const* parent = widget->parentWidget()) origin = parent->property(OriginProperty).toPoint();
    widget->setGeometry(widget->property(LeftProperty).toInt() - origin.x(),
                        widget->property(TopProperty).toInt() - origin.y(),
                        std::max(0, widget->property(WidthProperty).toInt()),
                        std::max(0, widget->property(HeightProperty).toInt()));
}

}  // namespace app::qt
