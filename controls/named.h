#pragma once

#include <QString>

#include <utility>

// Creates a widget with its objectName: every control is found by the name
// the clerk's forms give it.
template<typename W, typename... Args>
W *named(const QString &objectName, Args &&...args)
{
    auto *widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(objectName);
    return widget;
}
