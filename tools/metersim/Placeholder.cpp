// Simulator library placeholder until the simulator lands.
