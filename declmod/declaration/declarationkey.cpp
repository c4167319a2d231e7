#include "declmod/declaration/declarationkey.h"

#include "declmod/session/session.h"

namespace declmod {

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
