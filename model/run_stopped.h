// The one exception of the program's own. Below the output layer, what goes
// wrong is a value (a Diagnostic, a result); a run stops by exception only
// where it must unwind through the search's callbacks, a printer that finds
// standard output gone or a task of the pool that is abandoned, and only the
// start of the run catches it (the pool hands a task's exception to the
// thread that owns the task, as it hands any other).
#pragma once

namespace vesk {

struct RunStopped {
  enum class Why {
    OutputNotTaken,       // standard output takes no more (a full disk, a closed pipe)
    ErrorOutputNotTaken,  // standard error likewise
    Abandoned,            // the pool stops the tasks it abandons
  };
  Why why;
};

}  // namespace vesk
