// Child process that opens a base the way the editor does (exclusive mode), or the way the
// exporter does.
//
// usage: hold_driver BASE PASSWORD          prints "HOLDING", holds until standard input closes
//        hold_driver BASE PASSWORD shared   the same with the exporter's shared hold
//        hold_driver BASE PASSWORD save     prints "OPENED", saves the first question once and
//                                           prints "SAVED" or "SAVE-FAILED <code> <reason>"

#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s BASE PASSWORD [shared|save]\n", argv[0]);
        return 2;
    }
    const bool shared = argc == 4 && std::strcmp(argv[3], "shared") == 0;
    qb::Connection connection;
    try {
        if (!shared)
            connection.setMode(qb::kModeShareExclusive);
        connection.open(
            qb::connectionStringFor(QString::fromLocal8Bit(argv[1]), QString::fromUtf8(argv[2])));
    } catch (const qb::Error& error) {
        std::printf("FAILED %x %d\n", error.code(), static_cast<int>(error.reason()));
        return 1;
    }
    if (argc == 3 || shared) {
        std::puts("HOLDING");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    std::puts("OPENED");
    try {
        qb::Recordset rows;
        rows.openOn(connection, QStringLiteral("SELECT * FROM test"));
        rows.field(QStringLiteral("вопрос")).setValue(QStringLiteral("Изменённый вопрос"));
        rows.update();
        std::puts("SAVED");
    } catch (const qb::Error& error) {
        std::printf("SAVE-FAILED %x %d\n", error.code(), static_cast<int>(error.reason()));
    }
    return 0;
}
