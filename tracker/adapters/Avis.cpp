// Offered for navigation only: the program is never retrieved, so this
// adapter keeps the account thread's default of recording zero.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Avis final : public Adapter<Avis> {
public:
    static constexpr const char* KEY = "Avis";
};

RL_ADAPTER(Avis)

}  // namespace tracker::adapters
