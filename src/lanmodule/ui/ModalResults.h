#pragma once
// Results of the LAN module's modal dialogs. Cancel is the dialog's plain
// rejection, so that closing a dialog by its frame reads as Cancel.

#include <QDialog>

namespace ModalResult {
constexpr int mrCancel = QDialog::Rejected; // 0
constexpr int mrOK = QDialog::Accepted;     // 1
constexpr int mrYes = 6;
constexpr int mrNo = 7;
} // namespace ModalResult
