#pragma once
// A text field whose every change by the operator passes the field's rule, whatever way
// the text comes in: typed keys, a paste (Ctrl+V, Shift+Insert, the middle button's
// selection, a context menu), drag and drop, an input method. The rule sees
// the field's text before the change and the text the change would leave; when it refuses,
// the field keeps its text, cursor and selection as they were, and nothing of a pasted or
// dropped text enters.
//
// Texts the program puts in the field (setText, insert from a key handler) are not judged:
// a value already in the field is the program's, and it is never cut or refused here. So
// a rule that holds a typed limit lets an earlier, longer value stand, and judges only what
// the operator does to it.
//
// The windows keep their own key handlers (event filters) for what a key does; the rule is
// the limit every entry path shares. Nothing fails.

#include <QLineEdit>

#include <functional>

namespace declmod {

class RuledLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    // True when the change from `before` to `after` may stand.
    using Rule = std::function<bool(const QString &before, const QString &after)>;

    explicit RuledLineEdit(QWidget *parent = nullptr);
    ~RuledLineEdit() override;

    void setRule(Rule rule);
    const Rule &rule() const { return m_rule; }

    // A rule for fields that take only the characters `accepts` answers true for (given
    // each character's code), such as the digits of a telephone.
    static Rule eachCharacter(std::function<bool(int code)> accepts);

protected:
    bool event(QEvent *event) override;

private:
    class Judge;
    friend class Judge;

    Rule m_rule;
    int m_operatorDepth = 0; // events of the operator being handled
    QString m_before;        // the text when the innermost of them began
};

} // namespace declmod
