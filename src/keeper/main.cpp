// quorvane-keeper: the only program that opens the sealed bank. It runs set-user-id and
// set-group-id to an account of its own, talks to the exam window over the socket on descriptor
// 3 and hands it the questions, never their codes.
#include "keeper_process.h"

int main()
{
    return runKeeper(systemClock());
}
