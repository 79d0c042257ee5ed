#pragma once
// The "Configuration" page: the extra delay after every reboot check of the
// upgrades, and (hidden as delivered) the delay before writing board
// information. Both are whole seconds, 0 to 300, kept in the settings file.

#include <QWidget>

class AppContext;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class ConfigurationPage : public QWidget {
    Q_OBJECT
public:
    explicit ConfigurationPage(AppContext *ctx, QWidget *parent = nullptr);

    static constexpr int MaxDelay = 300;

    void tsConfigurationShow();
    void btnWARApplyClick();
    void btnWARDefaultClick();
    void btnWBBIApplyClick();
    void btnWBBIDefaultClick();
    // Shows the hidden group (service mode).
    void ShowHiddenGroups(bool show);

    QGroupBox *gbWaitAfterReboot;
    QLineEdit *edtWaitAfterReboot;
    QPushButton *btnWARApply;
    QPushButton *btnWARDefault;
    QGroupBox *gbWaitBeforeBI;
    QLineEdit *edtWaitBeforeBI;
    QPushButton *btnWBBIApply;
    QPushButton *btnWBBIDefault;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QGroupBox *makeGroup(const QString &title, const QString &name, QLineEdit *&edit,
                         const QString &editName, const QString &editLabel, QPushButton *&apply,
                         const QString &applyName, const QString &applyText, QPushButton *&reset,
                         const QString &resetName, const QString &resetText,
                         const QStringList &notes);
    // The edit's value, at most 300; false (after the error box) when the
    // text is no number.
    bool applyValue(QLineEdit *edit, int &value);
    void setAfterRebootDelay(int seconds);

    AppContext *ctx;
};
