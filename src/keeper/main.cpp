// quorvane-keeper: the only program that opens the sealed bank. systemd starts one for each
// connection to quorvane-keeper.socket, as the keeper's own account; it hands the exam window
// the questions, never their codes.
#include "keeper_process.h"

int main(int argc, char *argv[])
{
    return runKeeperWithArguments(systemClock(), argc, argv);
}
