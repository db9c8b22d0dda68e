# Placeholder until the office SDK wiring lands.
