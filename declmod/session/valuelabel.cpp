#include "declmod/session/valuelabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QString>
#include <QVariant>

namespace declmod {
namespace {

const char kCaptionProperty[] = "qavValueCaption";

class ValueLabelAccessible : public QAccessibleWidget
{
public:
    explicit ValueLabelAccessible(QLabel *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        const auto *label = static_cast<const QLabel *>(object());
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const QString caption = valueCaption(label);
        const QString shown = label->text().simplified();
        return shown.isEmpty() ? caption : caption + QStringLiteral(": ") + shown;
    }
};

QAccessibleInterface *valueLabelFactory(const QString &, QObject *object)
{
    auto *label = qobject_cast<QLabel *>(object);
    if (label && label->property(kCaptionProperty).isValid())
        return new ValueLabelAccessible(label);
    return nullptr;
}

} // namespace

void showsValue(QLabel *label, const QString &caption)
{
    static const bool installed = [] {
        QAccessible::installFactory(valueLabelFactory);
        return true;
    }();
    Q_UNUSED(installed);
    label->setProperty(kCaptionProperty, caption);
    label->setAccessibleName(QString());
    // An interface made before the label was marked (a label announces its first text when
    // it is built) would keep reading the text alone: it is dropped, and the next one made
    // is this one.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(label);
    if (iface && !dynamic_cast<ValueLabelAccessible *>(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

QString valueCaption(const QLabel *label)
{
    return label ? label->property(kCaptionProperty).toString() : QString();
}

} // namespace declmod
