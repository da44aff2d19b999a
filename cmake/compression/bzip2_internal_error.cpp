// bzip2 built without its file functions reports a broken invariant of its
// own here. It is thrown (bzip2 is built to let it through), and the reader
// that called bzip2 catches it and reports the input damaged.
#include <stdexcept>

extern "C" void bz_internal_error(int) { throw std::runtime_error("bzip2 internal error"); }
