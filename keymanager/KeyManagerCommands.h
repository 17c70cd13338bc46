// The commands of the key manager's window, once each: the handler's name and what it does in
// TForm1. Menus, the context menu, the tool buttons and the shortcuts name the id (Cmd +
// handler); TForm1 gets one method per row, and onCommand runs the row of an id (see win/Menus.h).
#pragma once
#include "win/Menus.h"

// clang-format off
#define MW_KEY_MANAGER_COMMANDS(Row)                                  \
    Row(NewKeyPair1Click, actions_->newKeyPair())                     \
    Row(AddFromFiles1Click, actions_->addFromFiles())                 \
    Row(AddFromClipboard1Click, actions_->addFromClipboard())         \
    Row(ExportToFile1Click, actions_->exportToFile())                 \
    Row(CopyToClipboard1Click, actions_->copyToClipboard())           \
    Row(ExportSecretKey1Click, actions_->exportSecretKey())           \
    Row(Certify1Click, actions_->certify())                           \
    Row(TrustOwner1Click, actions_->trustOwner())                     \
    Row(DisableOrEnable1Click, actions_->disableOrEnable())           \
    Row(Revoke1Click, actions_->revoke())                             \
    Row(ChangePassPhrase1Click, actions_->changePassPhrase())         \
    Row(AddUserId1Click, actions_->addUserId())                       \
    Row(RemoveUserId1Click, actions_->removeUserId())                 \
    Row(ChangeExpiry1Click, actions_->changeExpiry())                 \
    Row(Remove1Click, actions_->remove())                             \
    Row(Certifications1Click, actions_->showCertifications())         \
    Row(Refresh1Click, refreshKeys())                                 \
    Row(Filter1Click, focusFilter())                                  \
    Row(PGPSetup1Click, app_.setup().showModal())                     \
    Row(Exit1Click, close())                                          \
    Row(Help1Click, openHelp())
// clang-format on

namespace keymanager {

enum Command : int {
    CmdBeforeFirst = 2999, // the ids run from 3000 in the table's order
    MW_KEY_MANAGER_COMMANDS(MW_COMMAND_ID)
};

} // namespace keymanager
