// Device info report.
