// Placeholder until the simulated bus lands.
