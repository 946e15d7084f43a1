#pragma once
#include <QWidget>

// Every control of a dialog carries the number it has in the dialog's
// template as the property "controlId", so callers and tests find it by
// that number whatever the layout.
inline constexpr const char* kControlIdProperty = "controlId";

template <typename Widget>
Widget* WithControlId(Widget* widget, int id)
{
    widget->setProperty(kControlIdProperty, id);
    return widget;
}

template <typename Widget = QWidget>
Widget* FindControl(const QWidget* parent, int id)
{
    for (Widget* child : parent->findChildren<Widget*>()) {
        if (child->property(kControlIdProperty).toInt() == id)
            return child;
    }
    return nullptr;
}
