#pragma once
// Which advice boxes the Analyzer offers and when "Use advise" may be
// pressed, from the state of the window: loaded or not, and whether the
// analysis carried a coefficient fit.
#include "settings/advice_choice.h"

namespace gripline {

struct AdviceBoxState {
    AdviceChoice Enabled;
    AdviceChoice Ticked;
    bool AdviceButtonEnabled = false;
};

// After creation and after every load attempt: every available box enabled
// and ticked again, whatever was unticked before; the others disabled and
// unticked.
AdviceBoxState adviceBoxesAfterLoad(bool loaded, bool hasCoefficientAdvice);

// A loaded recording with at least one ticked profile box, or a ticked
// coefficient box when the analysis carried a fit.
bool adviceCanBeUsed(bool loaded, bool hasCoefficientAdvice, const AdviceChoice& ticked);

} // namespace gripline
