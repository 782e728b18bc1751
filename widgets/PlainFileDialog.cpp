#include "PlainFileDialog.h"

#include <QFileSystemModel>
#include <QPrintDialog>

namespace {

// One provider for every dialog: it holds no state, and the models keep only a pointer.
FileTypeIconProvider &fileTypeIcons()
{
    static FileTypeIconProvider provider;
    return provider;
}

} // namespace

PlainFileDialog::PlainFileDialog(QWidget *parent, const QString &caption, const QString &filter)
    : QFileDialog(parent, caption, QString(), filter)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setIconProvider(&fileTypeIcons());
}

QString PlainFileDialog::chosen(PlainFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString PlainFileDialog::saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                      const QString &filter)
{
    PlainFileDialog dialog(parent, caption, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(suggested);
    return chosen(dialog);
}

QString PlainFileDialog::openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                      const QString &filter)
{
    PlainFileDialog dialog(parent, caption, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(folder);
    return chosen(dialog);
}

void PlainFileDialog::quietenFileLists(QPrintDialog &dialog)
{
    for (QFileSystemModel *model : dialog.findChildren<QFileSystemModel *>())
        model->setIconProvider(&fileTypeIcons());
}
