// Offered for navigation only: the program is never retrieved, so this
// adapter keeps the account thread's default of recording zero.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Wyndham final : public Adapter<Wyndham> {
public:
    static constexpr const char* KEY = "Wyndham";
};

RL_ADAPTER(Wyndham)

}  // namespace tracker::adapters
