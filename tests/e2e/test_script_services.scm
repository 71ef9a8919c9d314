; The script service procedures and the suite's Scheme evaluators, called by
; name as the suite's scripts call them.

(define (qv-counter)
  (let ((data (catch #f (gimp-procedural-db-get-data "qv_scheme_run_eval4_ref"))))
    (if (and data (= (car data) 4)) (vector-ref (cadr data) 0) 0)))

(define (qv-set-counter n)
  (gimp-procedural-db-set-data "qv_scheme_run_eval4_ref" 4 (vector n 0 0 0)))

(define (qv-strings r) (let ((v (cadr r))) (if (vector? v) (vector->list v) v)))

(define (qv-file-text file)
  (let ((port (open-input-file file)))
    (let loop ((c (read-char port)) (acc '()))
      (if (eof-object? c)
          (begin (close-input-port port) (list->string (reverse acc)))
          (loop (read-char port) (cons c acc))))))

; The image's file need not exist: only its name anchors relative names.
(define qv-script-dir (string-append qv-source-dir "/tests/data/scripts"))
(define qv-image-dir (string-append qv-source-dir "/tests/data/img"))

(qv-test "all ten procedures are registered with their argument and value counts"
         (lambda ()
           (qv-check-counts
            '(("plug-in-qv-script-array" 2 2) ("plug-in-qv-read-from-string" 2 2)
              ("plug-in-qv-script-array-from-file" 2 2) ("plug-in-qv-script-array-from-string" 1 2)
              ("plug-in-qv-script-combine-string" 4 1) ("plug-in-qv-script-get-tmp-file" 2 1)
              ("plug-in-qv-remove-file" 1 0) ("plug-in-qv-script-get-tmp-file-ref" 2 1)
              ("plug-in-qv-scheme-run-eval-unref" 0 0) ("plug-in-qv-strtod" 1 1)
              ("script-fu-qv-eval4" 6 0) ("script-fu-qv-batch" 5 0)))
           (qv-check-equal "script argument"
                           (list PDB-STRING "script" "file name relative to the image or absolute, or Script-Fu text")
                           (gimp-procedural-db-proc-arg "plug-in-qv-script-array" 1))
           (qv-check-equal "index value" (list PDB-INT32 "index" "position after evalString")
                           (gimp-procedural-db-proc-val "plug-in-qv-read-from-string" 1))))

(qv-test "split strings into expressions, errors become messages"
         (lambda ()
           (let ((r (plug-in-qv-script-array-from-string "(define a 1)\n(display a)")))
             (qv-check-equal "count" 2 (car r))
             (qv-check-equal "expressions" '("(define a 1)" "(display a)") (qv-strings r)))
           (qv-check-equal "unexpected )"
                           '("(a)" "(gimp-message \"[Line 1:4] Error: unexpected )... closing parentheses!\")")
                           (qv-strings (plug-in-qv-script-array-from-string "(a))(b)")))
           (qv-check-equal "missing )"
                           '("(gimp-message \"[Line 1:1] Error: no closing parentheses ...) found!\")")
                           (qv-strings (plug-in-qv-script-array-from-string "(a")))
           (qv-check-equal "empty string" 0 (car (plug-in-qv-script-array-from-string "")))
           (qv-check-equal "script-array on text" '("(x)" "(y \";)\")")
                           (qv-strings (plug-in-qv-script-array 0 "(x) (y \";)\")")))))

(qv-test "read-from-string walks by index"
         (lambda ()
           (let* ((text "  (x) (y)")
                  (first (plug-in-qv-read-from-string text 0))
                  (second (plug-in-qv-read-from-string text (cadr first))))
             (qv-check-equal "first" '("(x)" 5) first)
             (qv-check-equal "second" "(y)" (car second))
             (qv-check-equal "none left" "()" (car (plug-in-qv-read-from-string text (cadr second)))))))

(qv-test "files relative to the image, missing and empty files"
         (lambda ()
           (let ((image (qv-new-image 8 8)))
             (gimp-image-set-filename image (string-append qv-image-dir "/x.xcf"))
             (let ((r (plug-in-qv-script-array-from-file image "../scripts/a.scm")))
               (qv-check-equal "relative file" '("(define a 1)" "(* a 2)") (qv-strings r)))
             (qv-check-equal "script-array reads the file too" 2
                             (car (plug-in-qv-script-array image "../scripts/a.scm")))
             (qv-check-equal "absolute file" 2
                             (car (plug-in-qv-script-array-from-file 0 (string-append qv-script-dir "/a.scm"))))
             (qv-check-equal "missing file" 0 (car (plug-in-qv-script-array-from-file image "../scripts/none.scm")))
             (qv-check-equal "empty file" 0 (car (plug-in-qv-script-array-from-file image "../scripts/empty.scm")))
             (qv-check-equal "combine file" "(begin (define a 1)\n(* a 2)\n)"
                             (car (plug-in-qv-script-combine-string image "(begin " "../scripts/a.scm" ")")))
             (qv-check-equal "combine text" "<(x)>" (car (plug-in-qv-script-combine-string 0 "<" "(x)" ">")))
             (qv-check-equal "combine empty" "" (car (plug-in-qv-script-combine-string 0 "<" "" ">")))
             (gimp-image-delete image))))

(qv-test "temporary files hold the expressions and are removed again"
         (lambda ()
           (let ((file (car (plug-in-qv-script-get-tmp-file 0 "(define b 2) (a))"))))
             (qv-check "file exists" (qv-file-exists? file))
             (qv-check-equal "content"
                             "(define b 2)\n(a)\n(gimp-message \"[Line 1:17] Error: unexpected )... closing parentheses!\")\n"
                             (qv-file-text file))
             (plug-in-qv-remove-file file)
             (qv-check "file removed" (not (qv-file-exists? file))))))

(qv-test "ref and unref raise and lower the nesting counter, never below 0"
         (lambda ()
           (qv-set-counter 0)
           (let ((file (car (plug-in-qv-script-get-tmp-file-ref 0 "(define qv-from-tmp 7)"))))
             (qv-check-equal "raised" 1 (qv-counter))
             (load file)
             (qv-check-equal "loaded" 7 qv-from-tmp)
             (plug-in-qv-remove-file file))
           (plug-in-qv-scheme-run-eval-unref)
           (qv-check-equal "lowered" 0 (qv-counter))
           (plug-in-qv-scheme-run-eval-unref)
           (qv-check-equal "not below 0" 0 (qv-counter))))

(qv-test "strtod"
         (lambda ()
           (qv-check-near "decimal" 2.5 (car (plug-in-qv-strtod "2.5")) 0)
           (qv-check-near "text" 0 (car (plug-in-qv-strtod "abc")) 0)))

; Script-Fu loads the suite's scripts into this interpreter too, so the
; evaluators are called here as the Scheme functions scripts see (no run mode).
(qv-test "the evaluators bind image, draw, av as a number and name"
         (lambda ()
           (let* ((image (qv-new-image 8 8))
                  (layer (car (gimp-image-get-active-layer image))))
             (script-fu-qv-eval4 image layer "0.2500000000" "\"my \\\"path\\\"\""
                                 "(gimp-image-set-filename image (string-append name \"-\" (number->string (* av 4)) \"-\" (number->string draw)))")
             (qv-check-equal "bound" (string-append "my \"path\"-" (number->string (* 0.25 4)) "-" (number->string layer))
                             (car (gimp-image-get-name image)))
             (gimp-image-set-filename image (string-append qv-image-dir "/x.xcf"))
             (script-fu-qv-batch image layer "../scripts/b.scm" "0.5")
             (qv-check-equal "batch ran the relative file" "b.xcf"
                             (car (gimp-image-get-name image)))
             (script-fu-qv-eval4 image layer "0" "\"\""
                                 "(gimp-image-set-filename image (if (defined? 'qv-b-local) \"/tmp/leaked.xcf\" \"/tmp/local.xcf\"))")
             (qv-check-equal "the code's definitions stay local" "local.xcf" (car (gimp-image-get-name image)))
             (gimp-image-delete image))))
