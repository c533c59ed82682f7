int fixture_unused;
