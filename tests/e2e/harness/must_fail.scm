; Harness self-check: one case passes, one fails; the run must be reported failed.
(qv-test "harness passes a true check" (lambda () (qv-check "true" #t)))
(qv-test "harness reports a false check" (lambda () (qv-check-equal "one" 1 2)))
