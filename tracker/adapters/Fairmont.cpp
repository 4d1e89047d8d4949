// Offered for navigation only: the program is never retrieved, so this
// adapter keeps the account thread's default of recording zero.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Fairmont final : public Adapter<Fairmont> {
public:
    static constexpr const char* KEY = "Fairmont";
};

RL_ADAPTER(Fairmont)

}  // namespace tracker::adapters
