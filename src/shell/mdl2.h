#pragma once

class Program;

// Start-up: the splash, the main window loaded hidden and cut to the shape of its skin, then the
// registration window. Returns once the registration window is shown.
void Main(Program &program);
