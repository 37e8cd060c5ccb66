#include "program.h"

Program::Program(Runtime &runtime)
    : runtime(runtime), frmLoad([this] { return std::make_unique<::frmLoad>(this->runtime); }),
      frmMain([this] { return std::make_unique<::frmMain>(*this); }),
      frmUser([this] { return std::make_unique<::frmUser>(*this); })
{}
