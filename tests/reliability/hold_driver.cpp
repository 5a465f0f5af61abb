// Child process that holds a base the way the editor does (exclusive mode) until its standard
// input closes, so a test can see what another program meets while the base is in use.
//
// usage: hold_driver BASE PASSWORD   prints "HOLDING" once the base is open

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s BASE PASSWORD\n", argv[0]);
        return 2;
    }
    try {
        qb::Connection connection;
        connection.setMode(qb::kModeShareExclusive);
        connection.open(
            qb::connectionStringFor(QString::fromLocal8Bit(argv[1]), QString::fromUtf8(argv[2])));
        std::puts("HOLDING");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
    } catch (const qb::Error& error) {
        std::printf("FAILED %s\n", error.what());
        return 1;
    }
    return 0;
}
