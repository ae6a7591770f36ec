// The operating-system layer: waiting input on standard input and the millisecond clock.
#pragma once

int bioskey();
int get_ms();
