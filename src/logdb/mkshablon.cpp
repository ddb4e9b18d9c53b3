// Build tool: writes the empty log template from the schema, so the template
// always matches the code that reads it.
#include "logdb/schema.h"
#include "logdb/dberror.h"

#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkshablon <path>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QFile::remove(path);
    try {
        Schema::createTemplate(path);
    } catch (const DbError &e) {
        std::fprintf(stderr, "mkshablon: %s\n", e.what());
        return 1;
    }
    return 0;
}
