// Offered for navigation only: the program is never retrieved, so this
// adapter keeps the account thread's default of recording zero.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Loews final : public Adapter<Loews> {
public:
    static constexpr const char* KEY = "Loews";
};

RL_ADAPTER(Loews)

}  // namespace tracker::adapters
