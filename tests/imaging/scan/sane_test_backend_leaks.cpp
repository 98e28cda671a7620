// SANE's test backend leaks the buffer of its reader thread whenever a scan ends early (a cancel,
// or an error it was told to inject): sane_cancel kills the thread before it frees what it
// allocated. That leak is the backend's, not ours. The scanner tests keep the backend's library
// loaded to the end of the process (see ScannerTest::SetUpTestSuite) so LeakSanitizer can name
// it, and these suppressions leave exactly that library's leaks out of the report.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libsane-test.so\n";
}
