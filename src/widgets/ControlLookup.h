#pragma once
// Handlers that serve all eight ports find the control of port N by name
// prefix + N (without regard to case) or by its tag.

#include <QString>
#include <QWidget>

class ControlLookup {
public:
    static constexpr const char *TagProperty = "tag";

    static void SetTag(QObject *control, int tag) { control->setProperty(TagProperty, tag); }
    static int Tag(const QObject *control);

    // First descendant of `root` with this tag (and of type T).
    template <typename T> static T *ByTag(QObject *root, int tag) {
        for (T *w : root->findChildren<T *>())
            if (Tag(w) == tag)
                return w;
        return nullptr;
    }
    // Descendant named prefix + n, compared without regard to case.
    template <typename T> static T *ByName(QObject *root, const QString &prefix, int n) {
        const QString name = prefix + QString::number(n);
        for (T *w : root->findChildren<T *>())
            if (w->objectName().compare(name, Qt::CaseInsensitive) == 0)
                return w;
        return nullptr;
    }
};
