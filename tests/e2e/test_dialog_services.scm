; The dialog service plug-in in a GIMP without a display: its procedures are
; registered as documented, and every dialog answers as cancelled instead of
; aborting the plug-in. (Answers given on a display, and the menu labels,
; are tested live.)

(define (qv-proc-args name count)
  (let loop ((i 0) (out '()))
    (if (= i count) (reverse out)
        (loop (+ i 1) (cons (gimp-procedural-db-proc-arg name i) out)))))

(define (qv-proc-values name count)
  (let loop ((i 0) (out '()))
    (if (= i count) (reverse out)
        (loop (+ i 1) (cons (gimp-procedural-db-proc-val name i) out)))))

(define qv-message-arg (list PDB-STRING "message" "Message text to display."))

; (name blurb args values), args and values as (type name description); the
; help repeats the blurb.
(define qv-dialog-procedures
  (list
   (list "plug-in-qv-prompt" "Prompts to enter text!"
         (list qv-message-arg (list PDB-STRING "entry" "Entry textline or \"\"."))
         (list (list PDB-STRING "entry" "text entered.")))
   (list "plug-in-qv-confirm" "Confirm message!"
         (list qv-message-arg)
         (list (list PDB-INT32 "confirmation" "CANCEL = FALSE, OK = 1")))
   (list "plug-in-qv-alert" "Alert message!" (list qv-message-arg) '())))

(qv-test "the three dialog procedures are registered as documented"
         (lambda ()
           (for-each
            (lambda (proc)
              (let* ((name (list-ref proc 0)) (args (list-ref proc 2)) (values (list-ref proc 3))
                     (info (gimp-procedural-db-proc-info name)))
                (qv-check-equal (string-append name " blurb") (list-ref proc 1) (list-ref info 0))
                (qv-check-equal (string-append name " help") (list-ref proc 1) (list-ref info 1))
                (qv-check-equal (string-append name " type") PLUGIN (list-ref info 5))
                (qv-check-equal (string-append name " argument count") (length args) (list-ref info 6))
                (qv-check-equal (string-append name " value count") (length values) (list-ref info 7))
                (if (= (length args) (list-ref info 6))
                    (qv-check-equal (string-append name " arguments") args (qv-proc-args name (length args))))
                (if (= (length values) (list-ref info 7))
                    (qv-check-equal (string-append name " values") values (qv-proc-values name (length values))))))
            qv-dialog-procedures)))

(qv-test "without a display every dialog answers as cancelled"
         (lambda ()
           ; A cancelled prompt sends no value, which Script-Fu shows as #f:
           ; unlike an empty text entered.
           (qv-check-equal "prompt" '(#f) (plug-in-qv-prompt "Name?" "frame_001.png"))
           (qv-check-equal "prompt with an empty entry" '(#f) (plug-in-qv-prompt "Name?" ""))
           (qv-check-equal "confirm" '(0) (plug-in-qv-confirm "Overwrite?"))
           (qv-check-equal "alert succeeds" '(#t) (plug-in-qv-alert "No Path available!"))))
