// Stands in for launcher.exe in the packer's tests: a Windows program with
// known resources (test_launcher.rc) that does nothing when run.
int wmain() { return 0; }
