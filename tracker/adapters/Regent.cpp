// Offered for navigation only: the program is never retrieved, so this
// adapter keeps the account thread's default of recording zero.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Regent final : public Adapter<Regent> {
public:
    static constexpr const char* KEY = "Regent";
};

RL_ADAPTER(Regent)

}  // namespace tracker::adapters
