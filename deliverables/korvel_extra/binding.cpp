// This plug-in binary is korvel_extra.
#include "plugin/deliverable.h"

namespace korvel {
const DeliverableDescription& kThisPlugin = kKorvelExtra;
}
