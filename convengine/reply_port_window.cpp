#include "convengine/reply_port.h"

namespace mordax {

// Until the engine is wired to the window system nothing can be delivered.
ReplyPort WindowReplyPort()
{
    return ReplyPort{};
}

} // namespace mordax
