#pragma once
// HelpWindow: the module's help, an HTML file in a browser dialog opened at its contents,
// or at the section of a window's help topic (F1 in that window). The file is the
// installation's copy (the session's help file) when it exists, otherwise the copy built
// into the program. An anchor the file does not hold leaves it at its top.

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
    // Opened at `anchor` instead of the contents.
    HelpWindow(const QString &helpFile, const QString &anchor, QWidget *parent = nullptr);

    // The anchor of the contents at the top of the file.
    static QString contentsAnchor() { return QStringLiteral("contenido"); }
    // The section of help topic `topic`: 1013 the identification of a declaration, 1012 its
    // detail; the contents for any other topic.
    static QString anchorForTopic(int topic);
    // The anchor the window was opened at.
    QString anchor() const { return m_anchor; }
    // The built-in copy.
    static QUrl embeddedUrl() { return QUrl(QStringLiteral("qrc:/declmod/help/declmod.html")); }

    QUrl source() const;
    QTextBrowser *browser() const { return m_browser; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    QTextBrowser *m_browser = nullptr;
    QString m_anchor;
};

} // namespace declmod
