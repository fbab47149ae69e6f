#include "platform/icon_size.h"

#include "platform/dpi.h"

namespace vantrel::platform {

int SmallIconSize(int dpi) {
    return SystemMetricAt(SM_CXSMICON, dpi);
}

int LargeIconSize(int dpi) {
    return SystemMetricAt(SM_CXICON, dpi);
}

} // namespace vantrel::platform
