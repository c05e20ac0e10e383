// Compiled into every test program of a sanitizer build: leaks inside system
// libraries that the program cannot free are not the tests' findings.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
