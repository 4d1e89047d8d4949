// Offered for navigation only: the program is never retrieved, so this
// adapter keeps the account thread's default of recording zero.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Alamo final : public Adapter<Alamo> {
public:
    static constexpr const char* KEY = "Alamo";
};

RL_ADAPTER(Alamo)

}  // namespace tracker::adapters
