// Keeps the test-support library non-empty before its first helper lands.
