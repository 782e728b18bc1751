#pragma once

#include "FileTypeIconProvider.h"

#include <QFileDialog>

class QPrintDialog;

// Qt's own file dialog (never the desktop's, which would run code of its own in this
// process) with icons told from file names, so that listing a folder opens no file in it.
class PlainFileDialog : public QFileDialog
{
    Q_OBJECT
public:
    PlainFileDialog(QWidget *parent, const QString &caption, const QString &filter);

    // The file chosen to be written, starting at the suggested path; empty when cancelled.
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                const QString &filter);
    // The existing file chosen, starting in the given folder; empty when cancelled.
    static QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                const QString &filter);

    // The print dialog lists folders for its output file too: the same icons there.
    static void quietenFileLists(QPrintDialog &dialog);

private:
    static QString chosen(PlainFileDialog &dialog);
};
