#include "tools/ToolGuard.h"

#include "core/VexelError.h"

#include <cstdio>
#include <exception>
#include <new>

int ExitOnException(const char *program) noexcept
{
    // Nothing here may need much memory: it may have run out.
    try {
        throw;
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "%s: 内存不足，程序无法继续 (out of memory)\n", program);
    } catch (const EVexelError &e) {
        try {
            std::fprintf(stderr, "%s: %s\n", program, e.message().toLocal8Bit().constData());
        } catch (...) {
            std::fprintf(stderr, "%s: 内存不足，程序无法继续 (out of memory)\n", program);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: 程序内部出错，无法继续 (%s)\n", program, e.what());
    } catch (...) {
        std::fprintf(stderr, "%s: 程序内部出错，无法继续\n", program);
    }
    return 1;
}
