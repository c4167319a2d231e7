#include "declmod/session/ruledlineedit.h"

#include <QEvent>
#include <QValidator>

namespace declmod {

// The field's validator: QLineEdit asks it about every change and undoes, silently and
// before any signal, a change it calls Invalid. It judges only while an event of the
// operator is being handled, so that the program's own texts always stand and the field
// never holds a text its validator has refused (which would let the next change through
// unjudged).
class RuledLineEdit::Judge : public QValidator
{
public:
    explicit Judge(RuledLineEdit *field) : QValidator(field), m_field(field) {}

    State validate(QString &input, int &) const override
    {
        if (m_field->m_operatorDepth == 0 || !m_field->m_rule || input == m_field->m_before)
            return Acceptable;
        return m_field->m_rule(m_field->m_before, input) ? Acceptable : Invalid;
    }

private:
    RuledLineEdit *m_field;
};

RuledLineEdit::RuledLineEdit(QWidget *parent) : QLineEdit(parent)
{
    setValidator(new Judge(this));
}

RuledLineEdit::~RuledLineEdit() = default;

void RuledLineEdit::setRule(Rule rule)
{
    m_rule = std::move(rule);
}

RuledLineEdit::Rule RuledLineEdit::eachCharacter(std::function<bool(int code)> accepts)
{
    return [accepts = std::move(accepts)](const QString &, const QString &after) {
        for (QChar c : after)
            if (!accepts(c.unicode()))
                return false;
        return true;
    };
}

bool RuledLineEdit::event(QEvent *e)
{
    // Every way the operator changes the text arrives as an event of the field (keys,
    // mouse buttons, drops, input methods, the context menu's actions); what happens
    // while it is handled is the operator's.
    const QString outer = m_before;
    m_before = text();
    ++m_operatorDepth;
    const bool handled = QLineEdit::event(e);
    --m_operatorDepth;
    m_before = outer;
    return handled;
}

} // namespace declmod
