#include "fuzz/fuzzinput.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"

#include <cstdlib>

// A parsed string must rebuild to a string that parses to the same path and password: the
// password can never leak into the path or the other way round.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = fuzz::text(data, size);
    qb::ConnectionString parsed;
    try {
        parsed = qb::parseConnectionString(input);
    } catch (const qb::Error& error) {
        if (error.code() != qb::kGeneralFailure)
            std::abort();
        return 0;
    }
    if (parsed.dataSource.isEmpty() ||
        parsed.dataSource.contains(qb::kPasswordPart, Qt::CaseInsensitive))
        std::abort();
    if (parsed.password) {
        const qb::ConnectionString again =
            qb::parseConnectionString(qb::connectionStringFor(parsed.dataSource, *parsed.password));
        if (again.dataSource != parsed.dataSource || again.password != parsed.password)
            std::abort();
    }
    return 0;
}
