; The suite's Scheme evaluator. The plug-ins hand it Scheme code (a file name
; or the text itself) with the image, drawable, animation value and name the
; code should see as image, draw, av and name.
;
; The code is never loaded as a file: Script-Fu keeps a file locked when the
; code in it fails. plug-in-qv-script-array reads the file (resolved against
; the image's file) or takes the text, and hands back its top-level
; expressions as strings, which are evaluated here one after another.

; av arrives as text ("%0.10f"); scripts compute with it, so it is bound as
; the number it spells (text that is no number stays text).
(define (qv-eval4-av av)
  (let ((number (string->number av)))
    (if number number av)))

; name arrives as a Scheme string literal ("\"path\""); bind the string it
; spells, or the text itself when it is no literal.
(define (qv-eval4-name name)
  (if (and (> (string-length name) 1) (char=? (string-ref name 0) #\"))
      (let ((value (read (open-input-string name))))
        (if (string? value) value name))
      name))

; A frame holding exactly the four bindings over the global environment:
; definitions made by the code stay in it and do not clobber globals.
(define (qv-eval4-environment image draw av name)
  (the-environment))

; Splitting code into expressions starts a plug-in process, and a render
; hands over the same code frame after frame: the splits of the last few
; code texts are kept. Only code is kept, never a file name, whose file may
; change between two calls; code is what starts with "(" or ";".
(define qv-eval4-splits '())
(define qv-eval4-splits-kept 16)

(define (qv-eval4-code? script)
  (let loop ((i 0))
    (and (< i (string-length script))
         (let ((c (string-ref script i)))
           (if (char-whitespace? c)
               (loop (+ i 1))
               (or (char=? c #\() (char=? c #\;)))))))

(define (qv-eval4-first n items)
  (if (or (= n 0) (null? items)) '() (cons (car items) (qv-eval4-first (- n 1) (cdr items)))))

(define (qv-eval4-expressions image script)
  (let ((known (and (qv-eval4-code? script) (assoc script qv-eval4-splits))))
    (if known
        (cdr known)
        (let* ((found (cadr (plug-in-qv-script-array image script)))
               (expressions (if (vector? found) (vector->list found) found)))
          (if (qv-eval4-code? script)
              (set! qv-eval4-splits
                    (cons (cons script expressions)
                          (qv-eval4-first (- qv-eval4-splits-kept 1) qv-eval4-splits))))
          expressions))))

(define (qv-eval4-run image draw av name script)
  (let ((environment (qv-eval4-environment image draw (qv-eval4-av av) (qv-eval4-name name))))
    (for-each (lambda (text) (eval (read (open-input-string text)) environment))
              (qv-eval4-expressions image script))))

(define (script-fu-qv-eval4 image draw av name script)
  (qv-eval4-run image draw av name script))

(script-fu-register "script-fu-qv-eval4"
                    ""
                    "Evaluates Scheme code (a file name relative to the image or absolute, or the code itself) with image, draw, av and name bound"
                    "QV path-style suite"
                    "QV path-style suite developers"
                    "2026"
                    ""
                    SF-IMAGE "image" 0
                    SF-DRAWABLE "draw" 0
                    SF-STRING "av" "0.0"
                    SF-STRING "name" "\"\""
                    SF-STRING "script" "")
