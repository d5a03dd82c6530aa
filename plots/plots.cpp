// Plot widgets and their writers.
