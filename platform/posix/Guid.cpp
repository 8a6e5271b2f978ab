#include "platform/Guid.h"

#include <uuid/uuid.h>

namespace trv::platform {

std::string newGuid()
{
    uuid_t id;
    uuid_generate(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return std::string(text, 36);
}

}  // namespace trv::platform
