#include "FolderDialog.h"

#include "CapturoLook.h"
#include "CapturoStyle.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

namespace FolderDialog {

QFileDialog* create(const QString& qsCaption)
{
    auto* pDialog = new QFileDialog(nullptr, qsCaption);
    pDialog->setOption(QFileDialog::DontUseNativeDialog, true);
    pDialog->setFileMode(QFileDialog::Directory);
    // After the mode: the mode sets the dialog's filter afresh.
    pDialog->setOption(QFileDialog::ShowDirsOnly, true);
    pDialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Places by their own names instead of the style's "Computer".
    const QString qsHome = QDir::homePath();
    const QString qsDocuments = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    pDialog->setSidebarUrls({QUrl::fromLocalFile(qsHome), QUrl::fromLocalFile(qsDocuments),
                             QUrl::fromLocalFile(QDir::rootPath())});
    // Names only: the detail view's column headers are the style's English ones.
    pDialog->setViewMode(QFileDialog::List);
    pDialog->setLabelText(QFileDialog::LookIn,
                          CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "查找范围:")));
    pDialog->setLabelText(QFileDialog::FileName,
                          CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "文件夹:")));
    pDialog->setLabelText(QFileDialog::FileType, CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "类型:")));
    pDialog->setLabelText(QFileDialog::Accept, CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "选择")));
    pDialog->setLabelText(QFileDialog::Reject, CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "取消")));
    pDialog->setFont(CapturoLook::yaHei(12));
    pDialog->setStyleSheet(CapturoStyle::kFolderDialog);
    // Folders are all it offers: the type row ("Directories") says nothing.
    for (const char* pName : {"fileTypeCombo", "fileTypeLabel"})
        if (QWidget* pWidget = pDialog->findChild<QWidget*>(pName))
            pWidget->hide();
    pDialog->resize(640, 420);
    return pDialog;
}

QString choose(const QString& qsCaption)
{
    const std::unique_ptr<QFileDialog> pDialog(create(qsCaption));
    if (pDialog->exec() != QDialog::Accepted)
        return QString();
    return pDialog->selectedFiles().value(0);
}

} // namespace FolderDialog
