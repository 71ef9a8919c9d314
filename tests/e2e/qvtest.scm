; A small test library for end-to-end tests written in Script-Fu.
;
; A test file is a sequence of (qv-test "name" (lambda () ...)) forms. Each case
; writes its own result file, so the cases before a crash or hang still count;
; a file "done" closes a run that reached its end. Inside a case, checks record
; failures; an error raised by the case (a failing procedure call, say) fails
; that case alone and the file goes on.

(define qv-results-dir "")
(define qv-source-dir "")
(define qv-tmp-dir "")
(define qv-case-number 0)
(define qv-case-failures '())

(define (qv-write-file path text)
  (let ((port (open-output-file path)))
    (display text port)
    (close-output-port port)))

(define (qv-pad3 n)
  (let ((s (number->string n)))
    (cond ((< n 10) (string-append "00" s))
          ((< n 100) (string-append "0" s))
          (else s))))

(define (qv->string v)
  (cond ((string? v) (string-append "\"" v "\""))
        ((number? v) (number->string v))
        ((eq? v #t) "#t")
        ((eq? v #f) "#f")
        ((null? v) "()")
        ((pair? v) (string-append "(" (qv-list->string v) ")"))
        ((vector? v) (string-append "#" (qv->string (vector->list v))))
        (else "?")))
(define (qv-list->string l)
  (cond ((null? l) "")
        ((null? (cdr l)) (qv->string (car l)))
        (else (string-append (qv->string (car l)) " " (qv-list->string (cdr l))))))

(define (qv-fail message)
  (set! qv-case-failures (cons message qv-case-failures)))

(define (qv-check what ok)
  (if (not ok) (qv-fail what)))

(define (qv-check-equal what expected actual)
  (if (not (equal? expected actual))
      (qv-fail (string-append what ": expected " (qv->string expected)
                              ", got " (qv->string actual)))))

(define (qv-check-near what expected actual tolerance)
  (if (> (abs (- expected actual)) tolerance)
      (qv-fail (string-append what ": expected " (number->string expected)
                              " within " (number->string tolerance)
                              ", got " (number->string actual)))))

(define (qv-join-lines l)
  (if (null? l) ""
      (string-append (car l) "\n" (qv-join-lines (cdr l)))))

(define (qv-test name thunk)
  (set! qv-case-number (+ qv-case-number 1))
  (set! qv-case-failures '())
  (let ((completed (catch #f (thunk) #t)))
    (if (not completed)
        (qv-fail "the case raised an error (see the GIMP output)"))
    (qv-write-file
     (string-append qv-results-dir "/" (qv-pad3 qv-case-number)
                    (if (null? qv-case-failures) ".pass" ".fail"))
     (string-append name "\n" (qv-join-lines (reverse qv-case-failures))))))

; Runs one test file: loads it (its qv-test forms run as they are read) and
; writes "done" when it got to its end.
(define (qv-test-file file results-dir source-dir tmp-dir)
  (set! qv-results-dir results-dir)
  (set! qv-source-dir source-dir)
  (set! qv-tmp-dir tmp-dir)
  (load file)
  (qv-write-file (string-append results-dir "/done") "done\n"))

; ---- helpers for building test images ----

; A new RGB image of size w x h with one white layer; returns the image id.
(define (qv-new-image w h)
  (let* ((image (car (gimp-image-new w h RGB)))
         (layer (car (gimp-layer-new image w h RGBA-IMAGE "Background" 100 LAYER-MODE-NORMAL))))
    (gimp-image-insert-layer image layer 0 -1)
    (gimp-drawable-fill layer FILL-WHITE)
    image))

; Adds a path made of one open Bezier stroke through the given anchors
; (a list of x y pairs, each anchor its own handles); returns the path id.
(define (qv-add-path image name points)
  (let* ((vectors (car (gimp-vectors-new image name)))
         (cps (qv-anchor-controls points)))
    (gimp-image-insert-vectors image vectors 0 -1)
    (gimp-vectors-stroke-new-from-points vectors 0 (length cps) (list->vector cps) FALSE)
    vectors))

(define (qv-anchor-controls points)
  (if (null? points) '()
      (let ((x (car points)) (y (cadr points)))
        (append (list x y x y x y) (qv-anchor-controls (cddr points))))))

(define (qv-string-prefix? prefix s)
  (and (>= (string-length s) (string-length prefix))
       (string=? prefix (substring s 0 (string-length prefix)))))

(define (qv-member-string s l)
  (cond ((null? l) #f)
        ((string=? s (car l)) #t)
        (else (qv-member-string s (cdr l)))))

; Adds a closed square path with its corner at (x, y); returns the path id.
(define (qv-add-square image name x y size)
  (let ((v (car (gimp-vectors-new image name))))
    (gimp-vectors-stroke-new-from-points
     v 0 24 (vector x y x y x y  (+ x size) y (+ x size) y (+ x size) y
                    (+ x size) (+ y size) (+ x size) (+ y size) (+ x size) (+ y size)
                    x (+ y size) x (+ y size) x (+ y size)) TRUE)
    (gimp-image-insert-vectors image v 0 -1)
    v))

; Whether a file exists (Script-Fu has no file-exists?).
(define (qv-file-exists? file)
  (let ((found (cadr (file-glob file 0))))
    (not (null? (if (vector? found) (vector->list found) found)))))

; A drawable's pixel as (r g b).
(define (qv-rgb drawable x y)
  (let ((p (cadr (gimp-drawable-get-pixel drawable x y))))
    (list (vector-ref p 0) (vector-ref p 1) (vector-ref p 2))))

; ---- checking a procedure's registration ----

; Menu entries are recorded in the profile's pluginrc: a procedure's block
; holds blurb, help, author, copyright, date, label, the number of menu paths
; and the menu paths, one a line.
(define (qv-read-line port)
  (let loop ((chars '()))
    (let ((c (read-char port)))
      (cond ((eof-object? c) (if (null? chars) c (list->string (reverse chars))))
            ((char=? c #\newline) (list->string (reverse chars)))
            (else (loop (cons c chars)))))))

(define (qv-read-lines file)
  (let ((port (open-input-file file)))
    (let loop ((out '()))
      (let ((line (qv-read-line port)))
        (if (eof-object? line)
            (begin (close-input-port port) (reverse out))
            (loop (cons line out)))))))

(define (qv-trim s)
  (let* ((n (string-length s))
         (start (let loop ((i 0)) (if (and (< i n) (char-whitespace? (string-ref s i))) (loop (+ i 1)) i)))
         (end (let loop ((i n)) (if (and (> i start) (char-whitespace? (string-ref s (- i 1)))) (loop (- i 1)) i))))
    (substring s start end)))

; The lines of a procedure's proc-def block, trimmed, or #f.
(define (qv-proc-def-lines lines name)
  (let ((head (string-append "(proc-def \"" name "\" 1")))
    (let find ((rest lines))
      (cond ((null? rest) #f)
            ((string=? (qv-trim (car rest)) head)
             (let take ((r (cdr rest)) (out '()) (n 0))
               (if (or (null? r) (= n 9)) (reverse out)
                   (take (cdr r) (cons (qv-trim (car r)) out) (+ n 1)))))
            (else (find (cdr rest)))))))



(define (qv-proc-args name count)
  (let loop ((i 0) (out '()))
    (if (= i count) (reverse out)
        (loop (+ i 1) (cons (gimp-procedural-db-proc-arg name i) out)))))

(define (qv-proc-values name count)
  (let loop ((i 0) (out '()))
    (if (= i count) (reverse out)
        (loop (+ i 1) (cons (gimp-procedural-db-proc-val name i) out)))))

; Checks blurb, help, type, and every argument and return value as
; (type name description) lists.
(define (qv-check-registration name blurb help args values)
  (let ((info (gimp-procedural-db-proc-info name)))
    (qv-check-equal (string-append name " blurb") blurb (list-ref info 0))
    (qv-check-equal (string-append name " help") help (list-ref info 1))
    (qv-check-equal (string-append name " type") PLUGIN (list-ref info 5))
    (qv-check-equal (string-append name " argument count") (length args) (list-ref info 6))
    (qv-check-equal (string-append name " value count") (length values) (list-ref info 7))
    (if (= (length args) (list-ref info 6))
        (qv-check-equal (string-append name " arguments") args (qv-proc-args name (length args))))
    (if (= (length values) (list-ref info 7))
        (qv-check-equal (string-append name " values") values (qv-proc-values name (length values))))))

; Checks only the counts: entries are (name argument-count value-count).
(define (qv-check-counts entries)
  (for-each
   (lambda (entry)
     (let ((info (gimp-procedural-db-proc-info (car entry))))
       (qv-check-equal (string-append (car entry) " arguments") (cadr entry) (list-ref info 6))
       (qv-check-equal (string-append (car entry) " values") (caddr entry) (list-ref info 7))))
   entries))
