// What a screen reader is given: the QAccessible tree of every page of the
// window, as delivered and in service mode, and of the dialogs the tool opens.
// Every control a person can reach has a name; nothing hidden (a tab the
// window hides, a hidden group) is exposed as present; the status bar's texts
// are readable and each new message is told.

#include "ShellFixture.h"

#include "app/OperationScope.h"
#include "control/ui/AdvancedPage.h"
#include "control/ui/EdidPage.h"
#include "control/ui/PreSetting_edit.h"
#include "control/ui/ShowInOutInfo.h"
#include "lanmodule/ui/EditLAN.h"
#include "lanmodule/ui/EnterYes.h"
#include "lanmodule/ui/LanDeviceGroup.h"
#include "lanmodule/ui/ModuleInfoGroup.h"
#include "lanmodule/ui/Search.h"
#include "widgets/TPageControl.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTabBar>

namespace {

QString pathOf(QObject *o) {
    QString path;
    for (; o; o = o->parent()) {
        const QString part = o->objectName().isEmpty()
                                 ? QString::fromLatin1(o->metaObject()->className())
                                 : o->objectName();
        path.prepend(QLatin1Char('/') + part);
    }
    return path;
}

// Roles a person reaches by keyboard or reviews as a control.
bool isControlRole(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::PageTab:
    case QAccessible::PageTabList:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ProgressBar:
    case QAccessible::StatusBar:
        return true;
    default:
        return false;
    }
}

// The name a screen reader speaks for it. On Linux Qt gives a combo box its
// current text as name; its label comes through the "labelled by" relation.
QString spokenName(QAccessibleInterface *iface) {
    if (iface->role() == QAccessible::ComboBox) {
        const auto labels = iface->relations(QAccessible::Label);
        QStringList names;
        for (const auto &rel : labels)
            names << rel.first->text(QAccessible::Name);
        return names.join(QLatin1Char(' ')).trimmed();
    }
    return iface->text(QAccessible::Name).trimmed();
}

struct Walk {
    QStringList problems;
    int controls = 0;
    QSet<QString> seen;

    void visit(QAccessibleInterface *iface, int depth) {
        if (!iface || !iface->isValid() || depth > 40)
            return;
        QObject *object = iface->object();
        auto *widget = qobject_cast<QWidget *>(object);
        const QAccessible::State state = iface->state();
        const QString where =
            object ? pathOf(object)
                   : pathOf(iface->parent() ? iface->parent()->object() : nullptr) +
                         QStringLiteral("/[") + iface->text(QAccessible::Name) + QLatin1Char(']');
        if (widget && !widget->isVisible()) {
            if (!state.invisible)
                problems << where + QStringLiteral(": hidden but exposed");
            return; // nothing under a hidden widget is reachable
        }
        if (!object && iface->role() == QAccessible::PageTab && !state.invisible) {
            // A tab of the page control: it must be one that shows.
            auto *bar = qobject_cast<QTabBar *>(iface->parent()->object());
            bool shownTab = false;
            for (int i = 0; bar && i < bar->count(); ++i)
                shownTab |= bar->isTabVisible(i) &&
                            QString(bar->tabText(i)).remove(QLatin1Char('&')).trimmed() ==
                                iface->text(QAccessible::Name);
            if (!shownTab)
                problems << where + QStringLiteral(": hidden tab exposed");
        }
        if (state.invisible)
            return;
        const bool reachable =
            isControlRole(iface->role()) || (widget && (widget->focusPolicy() & Qt::TabFocus));
        if (reachable) {
            ++controls;
            if (spokenName(iface).isEmpty())
                problems << where + QStringLiteral(": no accessible name (role %1)")
                                        .arg(int(iface->role()));
        }
        // Cells and items carry their data as names: not walked.
        const QAccessible::Role role = iface->role();
        if (role == QAccessible::Table || role == QAccessible::Tree || role == QAccessible::List ||
            role == QAccessible::ComboBox)
            return;
        for (int i = 0; i < iface->childCount(); ++i)
            visit(iface->child(i), depth + 1);
    }

    void walk(QWidget *root) { visit(QAccessible::queryAccessibleInterface(root), 0); }
};

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

    // Every tab the window shows, one after the other.
    static QStringList walkPages(TForm1 *form, int *pages, int *controls) {
        Walk walk;
        *pages = 0;
        for (int i = 0; i < form->pcContainer->count(); ++i) {
            if (!form->pcContainer->isTabVisible(i))
                continue;
            form->pcContainer->setCurrentIndex(i);
            ++*pages;
            walk.walk(form);
        }
        form->pcContainer->setCurrentIndex(0);
        walk.problems.removeDuplicates();
        for (const QString &p : walk.problems)
            qInfo().noquote() << p;
        *controls = walk.controls;
        return walk.problems;
    }

private slots:
    void init() {
        LinkTiming::shrinkForTests();
        GeneralPage::PortListSource = [] { return QStringList(); };
    }

    void deliveredWindow() {
        ShellFixture fx;
        fx.openWindow();
        int pages = 0, controls = 0;
        const QStringList problems = walkPages(fx.form.get(), &pages, &controls);
        QCOMPARE(pages, 7);
        QVERIFY(controls > 50);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void serviceWindow() {
        ShellFixture fx;
        fx.openWindow();
        fx.form->setServiceMode(true);
        int pages = 0, controls = 0;
        const QStringList problems = walkPages(fx.form.get(), &pages, &controls);
        QCOMPARE(pages, 17); // the sixteen pages of the form and the diagnostic log
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        // Back to the window as delivered: the hidden tabs are gone again.
        fx.form->setServiceMode(false);
        const QStringList again = walkPages(fx.form.get(), &pages, &controls);
        QCOMPARE(pages, 7);
        QVERIFY2(again.isEmpty(), qPrintable(again.join(QLatin1Char('\n'))));
    }

    void statusBarIsReadAndAnnounced() {
        ShellFixture fx;
        fx.startSim();
        fx.seedSimDevice();
        fx.openWindow();
        TStatusBar *sb = fx.form->sb;
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(sb);
        QVERIFY(bar);
        QCOMPARE(bar->role(), QAccessible::StatusBar);
        QCOMPARE(bar->text(QAccessible::Name), QStringLiteral("Status bar"));
        QCOMPARE(bar->childCount(), TStatusBar::PanelCount);
        QAccessibleInterface *message = bar->child(1);
        QVERIFY(message && message->isValid());
        QCOMPARE(message->role(), QAccessible::StaticText);
        QCOMPARE(message->text(QAccessible::Description), QStringLiteral("Message"));
        QCOMPARE(message->parent(), bar);
        QCOMPARE(bar->indexOfChild(message), 1);
        QVERIFY(!message->state().invisible);
        const QRect r = message->rect();
        QCOMPARE(bar->childAt(r.center().x(), r.center().y()), message);
        QCOMPARE(bar->child(0)->text(QAccessible::Name), QStringLiteral("Disconnect"));

        // Connecting: the connection panel tells its new text.
        const int connectionTold = sb->AnnounceCount(0);
        QTest::mouseClick(fx.form->General->btnConnect, Qt::LeftButton);
        QVERIFY(fx.engine()->Connected());
        QCOMPARE(bar->child(0)->text(QAccessible::Name), QStringLiteral("Connected: 127.0.0.1"));
        QCOMPARE(sb->AnnounceCount(0), connectionTold + 1);

        // An alert is told once, not once per blink; the same alert again is
        // a new message and told again.
        int told = sb->AnnounceCount(1);
        fx.form->ShowStatus(2, QStringLiteral("Time out!"), true);
        QTRY_VERIFY(!sb->Blinking());
        QCOMPARE(message->text(QAccessible::Name), QStringLiteral("Time out!"));
        QCOMPARE(bar->text(QAccessible::Value), QStringLiteral("Time out!"));
        QCOMPARE(sb->AnnounceCount(1), told + 1);
        fx.form->ShowStatus(2, QStringLiteral("Time out!"), true);
        QCOMPARE(sb->AnnounceCount(1), told + 2);
        // Cleared: the name follows, nothing is told.
        told = sb->AnnounceCount(1);
        fx.form->ShowStatus(2, QString());
        QVERIFY(message->text(QAccessible::Name).isEmpty());
        QCOMPARE(sb->AnnounceCount(1), told);

        // A note is told when it changes; the clock is kept but not told.
        const int notes = sb->AnnounceCount(2);
        fx.ctx()->RefuseWhenBusy(); // idle: no note
        QCOMPARE(sb->AnnounceCount(2), notes);
        {
            OperationScope op(fx.ctx(), OperationScope::Link::NotNeeded);
            QVERIFY(fx.ctx()->RefuseWhenBusy());
            QVERIFY(fx.ctx()->RefuseWhenBusy());
        }
        QCOMPARE(bar->child(2)->text(QAccessible::Name), AppContext::InProcessing);
        QCOMPARE(sb->AnnounceCount(2), notes + 1);
        fx.form->tmrTimer();
        QVERIFY(!bar->child(3)->text(QAccessible::Name).isEmpty());
        QCOMPARE(sb->AnnounceCount(3), 0);
    }

    void pageTabsAreTheShownOnes() {
        ShellFixture fx;
        fx.openWindow();
        TPageControl *pages = fx.form->pcContainer;
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(pages->tabBar());
        QVERIFY(list);
        QCOMPARE(list->role(), QAccessible::PageTabList);
        const auto tabNames = [list] {
            QStringList names;
            for (int i = 0; i < list->childCount(); ++i)
                if (list->child(i)->role() == QAccessible::PageTab)
                    names << list->child(i)->text(QAccessible::Name);
            return names;
        };
        const QStringList delivered{
            "General",          "EDID Management",     "Advanced",
            "Upgrade Firmware", "Product Information", "Firmware Package Information",
            "Configuration"};
        QCOMPARE(tabNames(), delivered);
        fx.form->setServiceMode(true);
        QCOMPARE(tabNames().size(), 17);
        QVERIFY(tabNames().contains(QStringLiteral("Diagnostic log")));
        fx.form->setServiceMode(false);
        QCOMPARE(tabNames(), delivered);
        for (int i = 0; i < list->childCount(); ++i)
            QCOMPARE(list->indexOfChild(list->child(i)), i);

        // "Press" on a tab follows the page rule: refused while an operation
        // runs, taken when idle.
        QAccessibleInterface *edid = list->child(1);
        QAccessibleActionInterface *action = edid->actionInterface();
        QVERIFY(action);
        QVERIFY(!edid->state().selected);
        {
            OperationScope op(fx.ctx(), OperationScope::Link::NotNeeded);
            action->doAction(QAccessibleActionInterface::pressAction());
            QCOMPARE(pages->currentWidget(), fx.form->General);
            QCOMPARE(fx.panel(2), AppContext::InProcessing);
        }
        action->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(pages->currentWidget(), fx.form->Edid);
        QVERIFY(edid->state().selected);
        QVERIFY(!list->child(0)->state().selected);
    }

    void dialogs() {
        ShellFixture fx;
        fx.openWindow();
        TForm1 *form = fx.form.get();
        const QList<QWidget *> dialogs{form->General->LanGroup->frmSearch(),
                                       form->General->LanGroup->frmEditLAN(),
                                       form->Advanced->ModuleInfo->frmEnterYes(),
                                       form->frmPreSettingEdit, form->frmShowInOutInfo};
        QStringList problems;
        for (QWidget *dialog : dialogs) {
            QVERIFY(dialog);
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            Walk walk;
            walk.walk(dialog);
            problems << walk.problems;
            dialog->hide();
        }
        // Every step of the search wizard.
        TfrmSearch *search = form->General->LanGroup->frmSearch();
        search->show();
        QVERIFY(QTest::qWaitForWindowExposed(search));
        for (int step = TfrmSearch::StepSearching; step <= TfrmSearch::StepNone; ++step) {
            search->ShowStep(step);
            Walk walk;
            walk.walk(search);
            QVERIFY2(walk.controls > 0, qPrintable(QString::number(step)));
            problems << walk.problems;
        }
        search->hide();
        problems.removeDuplicates();
        for (const QString &p : problems)
            qInfo().noquote() << p;
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
