#include "repair/verdict.h"

namespace lettrica::repair {

std::string Verdict::description() const {
    switch (slip) {
    case LayoutSlip::UsForRussian: return "typed on the US layout instead of the Russian one";
    case LayoutSlip::RussianForUs: return "typed on the Russian layout instead of the US one";
    case LayoutSlip::None: break;
    }
    return chain.length ? describe(chain) : std::string();
}

}  // namespace lettrica::repair
