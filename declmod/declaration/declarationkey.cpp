#include "declmod/declaration/declarationkey.h"

#include "declmod/session/session.h"

namespace declmod {

QString DeclarationKey::holdName() const
{
    return formNumber.trimmed() + u'/' + taxpayerId.trimmed() + u'/' + period.trimmed();
}

DeclarationKey DeclarationKey::fromSession(const Session &s)
{
    DeclarationKey key;
    key.taxpayerId = s.TaxpayerId;
    key.period = s.Period;
    key.formNumber = s.FormNumber;
    key.semana = s.Semana;
    key.correl = s.SentCorrel;
    return key;
}

} // namespace declmod
