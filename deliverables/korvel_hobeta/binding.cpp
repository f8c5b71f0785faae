// This plug-in binary is korvel_hobeta.
#include "plugin/deliverable.h"

namespace korvel {
const DeliverableDescription& kThisPlugin = kKorvelHobeta;
}
