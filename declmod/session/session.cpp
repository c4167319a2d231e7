#include "declmod/session/session.h"

namespace declmod {

Session &session()
{
    static Session instance;
    return instance;
}

} // namespace declmod
