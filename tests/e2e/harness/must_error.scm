; Harness self-check: a Scheme error outside any case stops the file.
(qv-test "harness passes a true check" (lambda () (qv-check "true" #t)))
(this-procedure-does-not-exist)
