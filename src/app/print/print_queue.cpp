#include "app/print/print_queue.h"

#include <cups/cups.h>

namespace lettrica::app {

QString lastJobRefusal() {
    const ipp_status_t status = cupsLastError();
    if (status <= IPP_STATUS_OK_EVENTS_COMPLETE) return {};
    const char* words = cupsLastErrorString();
    return words && *words ? QString::fromUtf8(words) : QString::fromLatin1(ippErrorString(status));
}

}  // namespace lettrica::app
