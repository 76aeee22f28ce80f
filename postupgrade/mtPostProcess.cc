// Post-boot upgrade: entry point and the automatic download-and-apply flow.
