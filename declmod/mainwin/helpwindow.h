#pragma once
// HelpWindow: the module's help, an HTML file in a browser dialog opened at its contents.
// The file is the installation's copy (the session's help file) when it exists, otherwise
// the copy built into the program.

#include <QDialog>
#include <QUrl>

class QTextBrowser;

namespace declmod {

class HelpWindow : public QDialog
{
    Q_OBJECT

public:
    // `helpFile` is the installation's help file; an empty or missing one means the
    // built-in copy.
    explicit HelpWindow(const QString &helpFile, QWidget *parent = nullptr);

    // The anchor of the contents at the top of the file.
    static QString contentsAnchor() { return QStringLiteral("contenido"); }
    // The built-in copy.
    static QUrl embeddedUrl() { return QUrl(QStringLiteral("qrc:/declmod/help/declmod.html")); }

    QUrl source() const;
    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser = nullptr;
};

} // namespace declmod
