// korvel_hobeta: Hobeta-wrapped pictures of every kind, packed or not.

#include "plugin/deliverable.h"
#include "plugin/load.h"
#include "plugin/recognition.h"

namespace korvel {

namespace {

constexpr const HobetaRule* kRules[] = {
    &kWrappedStandardScreen,     &kWrappedBitmapOnlyScreen,      &kBlockCodedScreen,
    &kCharacterSet96,            &kCharacterSet256,              &kLcmp5PackedScreen,
    &kHrPackedThreeColourScreen, &kWrappedGigascreen,            &kHrPackedGigascreen,
    &kWrappedThreeColourScreen,  &kWrappedMulticolourScreen,     &kWrappedMulticolourGigascreen,
    &kBitSpriteSheet,
};

// The read buffer, then one 18432-byte work area that every depacker output
// ends at the end of.
constexpr size_t kWorkArea = kReadBufferBytes;

}  // namespace

const DeliverableDescription kKorvelHobeta = {
    "korvel_hobeta",
    "!s;$s;!f;$8;scr",
    kRules,
    sizeof kRules / sizeof kRules[0],
    {kWorkArea + 18432, kWorkArea + 11520, kWorkArea, kWorkArea + 4608},
    kLcmp5Current,
};

}  // namespace korvel
