// Offered for navigation only: the program is never retrieved, so this
// adapter keeps the account thread's default of recording zero.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Omni final : public Adapter<Omni> {
public:
    static constexpr const char* KEY = "Omni";
};

RL_ADAPTER(Omni)

}  // namespace tracker::adapters
