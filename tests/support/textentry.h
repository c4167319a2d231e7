#pragma once
// Text brought into a field in the ways an operator has besides typing: a drop (the drag
// entering first, as the window system delivers it) and an input method's commit.

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QWidget>

namespace qavtest {

// Drops `text` on `field` at `at`; false when the field refused the drag.
inline bool dropText(QWidget *field, const QString &text, QPoint at)
{
    QMimeData mime;
    mime.setText(text);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &drop);
    return true;
}

// Commits `text` into the focused `field` as an input method does.
inline void commitText(QWidget *field, const QString &text)
{
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(field, &commit);
}

} // namespace qavtest
