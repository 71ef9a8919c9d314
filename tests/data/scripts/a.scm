(define a 1)
(* a 2)
