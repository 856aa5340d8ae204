#include "core/barrier/ContactPair.h"

#include <sys/ioctl.h>

std::optional<ContactPair> contactPairAt(int index)
{
    static constexpr ContactPair pairs[] = {
        {TIOCM_DTR, TIOCM_CAR},
        {TIOCM_DTR, TIOCM_DSR},
        {TIOCM_RTS, TIOCM_CTS},
        {TIOCM_RTS, TIOCM_RNG},
    };
    if (index < 0 || index >= int(std::size(pairs)))
        return std::nullopt;
    return pairs[index];
}
