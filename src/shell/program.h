#pragma once

#include "registration/frm_user.h"
#include "screens/form.h"
#include "screens/frm_load.h"
#include "testrun/frm_main.h"
#include "testrun/test_run_state.h"

class Runtime;

// One run of the program: its runtime, the test run's variables and the one instance of each
// window.
class Program final
{
public:
    explicit Program(Runtime &runtime);
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    Runtime &runtime;
    TestRunState state;
    FormSlot<::frmLoad> frmLoad;
    FormSlot<::frmMain> frmMain;
    FormSlot<::frmUser> frmUser;
};
