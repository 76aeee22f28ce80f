// Firmware packet checks and the image digest.
