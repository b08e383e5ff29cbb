#include "app/LastGuard.h"

#include <exception>
#include <ostream>

namespace quorbit {

int RunWithLastGuard(const std::function<int()>& body, std::ostream& err,
                     const std::string& program) {
    try {
        return body();
    } catch (const std::exception& e) {
        err << program << ": " << e.what() << "\n";
    } catch (...) {
        err << program << ": stopped by an unexpected error\n";
    }
    return 2;
}

} // namespace quorbit
