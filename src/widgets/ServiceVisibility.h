#pragma once
// Controls and groups that the form as delivered keeps hidden are marked, so
// that the service mode (matrix-tool --service) can show exactly those and
// nothing else. A page hides such a widget with HideAsDelivered().

#include <QWidget>

namespace ServiceVisibility {
constexpr const char *Property = "hiddenAsDelivered";

inline void HideAsDelivered(QWidget *widget) {
    widget->setProperty(Property, true);
    widget->setVisible(false);
}
inline bool IsHiddenAsDelivered(const QWidget *widget) {
    return widget->property(Property).toBool();
}
// Shows (service) or hides again (delivered) every marked widget under root.
inline void Apply(QWidget *root, bool service) {
    for (QWidget *w : root->findChildren<QWidget *>())
        if (IsHiddenAsDelivered(w))
            w->setVisible(service);
}
} // namespace ServiceVisibility
