// This plug-in binary is korvel_screens.
#include "plugin/deliverable.h"

namespace korvel {
const DeliverableDescription& kThisPlugin = kKorvelScreens;
}
