// The process-wide media layer, like the system's own.
#include "mcisession.h"

namespace mci {

Session& defaultSession()
{
    static Session session;
    return session;
}

int sendString(std::string_view command, std::string* reply)
{
    return defaultSession().send(command, reply);
}

void setOutputGain(double gain)
{
    defaultSession().setOutputGain(gain);
}

void setNotifyHandler(NotifyHandler handler)
{
    defaultSession().setNotifyHandler(std::move(handler));
}

} // namespace mci
