// korvel_screens: raw screens of every size, and the older, shorter set of
// wrapped pictures, with the older LCMP5 depacker.

#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "plugin/recognition.h"

namespace korvel {

namespace {

constexpr const HobetaRule* kRules[] = {
    &kWrappedStandardScreen, &kWrappedBitmapOnlyScreen, &kBlockCodedScreen,          &kCharacterSet96,
    &kCharacterSet256,       &kLcmp5PackedScreen,       &kHrPackedThreeColourScreen,
};

// The read buffer, then a 6912-byte area for LCMP5 output, then an
// 18432-byte area for HR output: the two outputs do not share space.
constexpr size_t kLcmp5Area = kReadBufferBytes;
constexpr size_t kHrArea = kLcmp5Area + 6912;

}  // namespace

const DeliverableDescription kKorvelScreens = {
    "korvel_screens",
    "xpc;xpv;rgb;gsc;iscr;mc;mcx",
    kRules,
    sizeof kRules / sizeof kRules[0],
    {kHrArea + 18432, kLcmp5Area, kHrArea, kHrArea + 4608},
    kLcmp5Older,
};

}  // namespace korvel
