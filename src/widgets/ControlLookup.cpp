#include "widgets/ControlLookup.h"

#include <QVariant>

int ControlLookup::Tag(const QObject *control) {
    const QVariant v = control->property(TagProperty);
    return v.isValid() ? v.toInt() : 0;
}
