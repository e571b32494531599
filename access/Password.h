#pragma once

#include "shell/ScreenKit.h"

class QLineEdit;
class QPushButton;

// The login: the program's main window and the first screen the user sees.
class TfrmPassword final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmPassword)

public:
    explicit TfrmPassword(QWidget *parent = nullptr);

    // Back from the change-password screen: empty field and memory, shown, focused.
    void comeBack();

signals:
    void accessGranted();
    void changePasswordRequested();

public slots:
    void cmdOKClick();
    void cmdEsciClick();
    void btnCambiaPasswordClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void txtPasswordChange();
    // The first-access keyword shows while the password store holds it.
    void showFirstAccessKeyword();

    QLineEdit *txtPassword = nullptr;
    QPushButton *cmdOK = nullptr;
};
