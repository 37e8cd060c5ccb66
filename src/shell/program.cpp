#include "program.h"

#include "screens/runtime.h"
#include "store/database.h"

Program::Program(Runtime &runtime)
    : runtime(runtime), frmLoad([this] { return std::make_unique<::frmLoad>(this->runtime); }),
      frmMain([this] { return std::make_unique<::frmMain>(*this); }),
      frmUser([this] { return std::make_unique<::frmUser>(*this); })
{
    // Closing the bank as the program ends puts whatever was committed into data.mdb itself, also
    // for a bank kept with a write-ahead log, and leaves no side file of the engine beside it.
    runtime.atEnd([] { DBEngine::CloseAll(); });
}
