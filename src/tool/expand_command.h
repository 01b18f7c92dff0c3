#pragma once
// "kvxtool expand IN -o OUT": the expansion of the test's active algorithm, as "OK" of the
// algorithms dialog gives it with its option "Показать результат" on.

namespace kvx::tool {

/// argv as kvxtool's main got it (argv[1] is "expand"). Returns 0 when OUT was written, 1 when
/// it was written and the load showed a message, 2 on bad arguments, an unreadable IN, a
/// refused algorithm or expansion (the Russian message on standard error, OUT not written) or
/// an OUT that could not be written.
int runExpand(int argc, char** argv);

}  // namespace kvx::tool
